local total = 0
for row = 0, 239 do
  local cy = row * 0.01 - 1.2
  for col = 0, 319 do
    local cx = col * 0.009375 - 2
    local x, y, xx, yy, n = 0.0, 0.0, 0.0, 0.0, 0
    while n < 100 and xx + yy <= 4 do
      y = 2 * x * y + cy
      x = xx - yy + cx
      xx = x * x
      yy = y * y
      n = n + 1
    end
    total = total + n
  end
end
print(total)
