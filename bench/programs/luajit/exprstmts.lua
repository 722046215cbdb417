-- Many short expression statements per iteration, two of them without effect; in Lua 5.1 for
-- LuaJIT: exprstmts.lua with math.floor(a / b) for a // b.
local floor = math.floor
local N = 15000000
local a, b, c, d, e, f, g, h = 0, 0, 0, 0, 0, 0, 0, 0
for i = 0, N - 1 do
  a = a + 1
  b = b + a
  c = c + b + 1
  local _ = a + b
  d = d + 3 * a + 2 * b + c
  e = i * 2 + 1
  f = e - i - i
  g = g + f
  h = (a + b) * 2 - c
  a = a - floor(a / 4096) * 4096
  b = b - floor(b / 8192) * 8192
  c = c - floor(c / 65536) * 65536
  d = d - floor(d / 1000003) * 1000003
  _ = h * 2
  g = g + h - h
end
io.write(a, " ", b, " ", c, " ", d, " ", e, " ", f, " ", g, " ", h, "\n")
