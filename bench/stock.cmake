# The stock behaviours on a page holding a long quote list: what a key costs
# when "accesskeys" sits on the root and looks at every element for its name.
if(TARGET htmlayout_behaviors)
  parvela_bench(stock_bench SOURCES stock_bench.cpp LIBS htmlayout_behaviors)
endif()
