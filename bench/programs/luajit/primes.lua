-- Nested loops, in Lua 5.1 for LuaJIT: primes.lua with math.floor(a / b) for a // b.
local floor = math.floor
local N = 850000
local count, sum = 0, 0
for i = 2, N - 1 do
  local isp = 1
  local d = 2
  while isp ~= 0 and d * d <= i do
    if i - floor(i / d) * d == 0 then isp = 0 end
    d = d + 1
  end
  if isp ~= 0 then
    count = count + 1
    sum = sum + i
    if sum >= 1000000007 then sum = sum - 1000000007 end
  end
end
io.write(count, " ", sum, "\n")
