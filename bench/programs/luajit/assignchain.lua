-- Assignment chains, in Lua 5.1 for LuaJIT: assignchain.lua with math.floor(a / b) for a // b.
-- Every number is a double here; all values stay integral and far below 2^53, so they print
-- and divide exactly as the integers of the other versions do.
local floor = math.floor
local N = 17000000
local a, b, c, d, s, k = 1, 2, 3, 4, 0, 0
local r = 0.5
for i = 0, N - 1 do
  a = b; a = c + i                      -- a = b = c + i
  b = c; b = a - b                      -- b = c = a - b
  c = d; d = d + 1; c = d               -- c = d = (d = d + 1)
  d = d - floor(d / 1000) * 1000
  a = b; a = a; a = b                   -- a = b = a = b
  k = floor(r); k = a - c               -- k = r = a - c   (r >= 0, so floor truncates)
  r = k + 0.0; r = i + 0.0              -- r = k = i
  a = b; a = d; s = s + a               -- s = s + (a = b = d)
  s = s - floor(s / 999983) * 999983
end
io.write(a, " ", b, " ", c, " ", d, " ", k, " ", s, "\n")
