values = []
for i in range(1, 200001):
    values.append(i % 100)
total = 0
for round in range(10):
    for i in range(200000):
        total += values[i]
print(total)
