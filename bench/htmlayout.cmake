# The engine's document model: building the program's lists row by row,
# selecting by id, memory per row.
if(TARGET htmlayout_dom)
  parvela_bench(htmlayout_bench SOURCES htmlayout_bench.cpp LIBS htmlayout_dom)
endif()
