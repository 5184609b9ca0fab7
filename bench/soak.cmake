korvel_add_benchmark(soak_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/SoakBench.cpp LIBS korvel_scenario_lib)
