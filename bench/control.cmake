korvel_add_benchmark(control_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/SpectrumBench.cpp LIBS korvel_control)
