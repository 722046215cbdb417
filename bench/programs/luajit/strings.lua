-- Strings, in Lua 5.1 for LuaJIT: strings.lua with math.floor(a / b) for a // b.
local floor = math.floor
local N = 10000000
local x, len, less, same = 1, 0, 0, 0
local w, prev, best, worst, pair = "", "", "", "zzzzzzzzz", ""
for i = 0, N - 1 do
  x = x * 1103 + 12345
  x = x - floor(x / 65536) * 65536
  local k = floor(x / 4096)
  if k < 5 then
    w = w .. "a"
  elseif k < 9 then
    w = w .. "b"
  elseif k < 14 then
    w = w .. "c"
  else
    w = w .. "d"
  end
  len = len + 1
  if len == 8 then
    if w > best then best = w end
    if w < worst then worst = w end
    if w <= prev then less = less + 1 end
    pair = prev .. w
    if pair < "abc" or w == prev then same = same + 1 end
    prev = w
    w = ""
    len = 0
  end
end
io.write(best, " ", worst, " ", less, " ", same, " ", pair, "\n")
