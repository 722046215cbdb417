-- Real arithmetic, in Lua 5.1 for LuaJIT: the same as mandel.lua, which needs no // at all.
local N = 560
local maxit = 24
local total, inside = 0, 0
for f = 0, N - 1 do
  for y = 0, 79 do
    for x = 0, 79 do
      local cr = x * 0.03125 - 2.0 + f * 0.0009765625
      local ci = y * 0.03125 - 1.25 + f * 0.00048828125
      local zr, zi = 0.0, 0.0
      local it = 0
      while it < maxit and zr * zr + zi * zi <= 4.0 do
        local t = zr * zr - zi * zi + cr
        zi = 2 * zr * zi + ci
        zr = t
        it = it + 1
      end
      total = total + it
      if it == maxit then inside = inside + 1 end
    end
  end
end
io.write(total, " ", inside, "\n")
