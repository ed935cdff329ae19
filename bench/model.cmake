# The collection model on a collection of 100,000 quotes and 1,000 tags.
parvela_bench(model_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/model_bench.cpp
  LIBS model)

# The word search and the building of the word indexes.
parvela_bench(model_words_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/model_words_bench.cpp
  LIBS model)
