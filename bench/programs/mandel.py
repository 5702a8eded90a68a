total = 0
for row in range(240):
    cy = row * 0.01 - 1.2
    for col in range(320):
        cx = col * 0.009375 - 2
        x = y = xx = yy = 0.0
        n = 0
        while n < 100 and xx + yy <= 4:
            y = 2 * x * y + cy
            x = xx - yy + cx
            xx = x * x
            yy = y * y
            n += 1
        total += n
print(total)
