total = 0
for i in range(1, 3001):
    for j in range(1, 1001):
        total = total + (i * j) % 7 - j // 3
print(total)
