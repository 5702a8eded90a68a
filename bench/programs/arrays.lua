local list = {}
for i = 1, 200000 do list[#list + 1] = i % 100 end
local total = 0
for round = 1, 10 do
  for i = 1, 200000 do total = total + list[i] end
end
print(total)
