# The engine's input side on a long quote list: pointer moves, clicks, keys,
# typing into an edited tag, a check item of a popup menu.
if(TARGET htmlayout_input)
  parvela_bench(input_bench SOURCES input_bench.cpp LIBS htmlayout_input)
endif()
