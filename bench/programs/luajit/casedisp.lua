-- Case dispatch in a loop, in Lua 5.1 for LuaJIT: casedisp.lua with math.floor(a / b) for
-- a // b (no operand is negative, so flooring truncates).
local floor = math.floor
local N = 20000000
local x, a, b, c, d, e = 1, 0, 0, 0, 0, 0
for i = 0, N - 1 do
  x = x * 1103 + 12345
  x = x - floor(x / 65536) * 65536
  local op = floor(x / 16) - floor(floor(x / 16) / 10) * 10
  if op == 0 then
    a = a + 1
  elseif op == 1 then
    b = b + 3
  elseif op == 2 or op == 3 then
    c = c + floor(x / 4096)
  elseif op == 4 then
    a = a + 2
    d = d + 2
  elseif op == 5 or op == 6 or op == 7 then
    d = d + 1
  elseif op == 8 then
    e = e + i - floor(i / 7) * 7
  elseif op == 9 then
    b = b + 1
    e = e + 1
  end
end
io.write(a, " ", b, " ", c, " ", d, " ", e, "\n")
