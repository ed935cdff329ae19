# The litehtml groundwork on a fixed page shaped like the mirror of a long
# quote list: only the rows near the viewport exist, spacers stand in for the
# rest.
parvela_bench(render_bench SOURCES render_bench.cpp LIBS htmlayout_render_testing)
if(TARGET htmlayout_qt)
  parvela_bench(render_qt_bench SOURCES render_bench.cpp LIBS htmlayout_qt)
  target_compile_definitions(render_qt_bench PRIVATE RENDER_BENCH_QT)
endif()

# The renderer itself, mirroring the engine's document of the program's quote
# list: first layout, insert, state toggle, scrolling, paint, hit test,
# memory and the view's rebuild of the list.
parvela_bench(renderer_bench SOURCES renderer_bench.cpp LIBS htmlayout_render_testing view)
target_compile_definitions(renderer_bench PRIVATE PARVELA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
if(TARGET htmlayout_qt)
  parvela_bench(renderer_qt_bench SOURCES renderer_bench.cpp LIBS htmlayout_qt view)
  target_compile_definitions(renderer_qt_bench PRIVATE RENDER_BENCH_QT
    PARVELA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
