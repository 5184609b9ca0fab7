korvel_add_benchmark(stream_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/StreamBench.cpp LIBS korvel_scenario_lib)
target_include_directories(stream_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
