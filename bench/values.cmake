korvel_add_benchmark(values_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ValuesBench.cpp LIBS korvel_values)
