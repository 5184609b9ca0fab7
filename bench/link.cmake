korvel_add_benchmark(link_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/DispatchBench.cpp LIBS korvel_link)
