-- Short-circuit conditions, in Lua 5.1 for LuaJIT: shortcirc.lua with math.floor(a / b) for
-- a // b; the guarded divisions keep their guards, so no division by zero happens here either.
local floor = math.floor
local N = 14000000
local x, h1, h2, h3, h4 = 1, 0, 0, 0, 0
for i = 0, N - 1 do
  x = x * 1103 + 12345
  x = x - floor(x / 65536) * 65536
  local a = floor(x / 256)
  local b = x - floor(x / 256) * 256
  if a > 128 and b < 64 or a < 32 and b > 200 or a - b == 0 then h1 = h1 + 1 end
  if b ~= 0 and floor(a / b) > 3 then h2 = h2 + 1 end
  if a == 0 or floor(b / a) < 2 and not (b == 0) then h3 = h3 + 1 end
  if a > 10 and b > 10 and a + b < 300 and a ~= b or a == 7 or b == 7 then h4 = h4 + 1 end
end
io.write(h1, " ", h2, " ", h3, " ", h4, "\n")
