# The renderer on the mirror of a long quote list: only the rows near the
# viewport exist in litehtml, spacers stand in for the rest.
parvela_bench(render_bench SOURCES render_bench.cpp LIBS htmlayout_render)
if(TARGET htmlayout_qt)
  parvela_bench(render_qt_bench SOURCES render_bench.cpp LIBS htmlayout_qt)
  target_compile_definitions(render_qt_bench PRIVATE RENDER_BENCH_QT)
endif()
