local total = 0
for i = 1, 3000 do
  for j = 1, 1000 do
    total = total + (i * j) % 7 - j // 3
  end
end
print(total)
