-- Integer while-loop, in Lua 5.1 for LuaJIT: intloop.lua with math.floor(a / b) for a // b.
local floor = math.floor
local N = 40000000
local i, x, low = 0, 1, 0
while i < N do
  x = x * 13 + 7
  x = x - floor(x / 1000003) * 1000003
  if x < 500000 then low = low + 1 end
  i = i + 1
end
io.write(x, " ", low, "\n")
