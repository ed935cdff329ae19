# The document widget on the program's main page with a long quote list:
# first paint after load, one paint of the window, scrolling by a page.
if(TARGET htmlayout_widgets AND TARGET view)
  parvela_bench(qthost_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/qthost_bench.cpp
    LIBS htmlayout_widgets view tinyxml)
  target_compile_definitions(qthost_bench PRIVATE PARVELA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
