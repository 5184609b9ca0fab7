korvel_add_benchmark(metering_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/MeteringBench.cpp LIBS korvel_metering)
target_include_directories(metering_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
korvel_add_benchmark(metering_widgets_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/MeterWidgetsBench.cpp
                     LIBS korvel_metering korvel_ui)
