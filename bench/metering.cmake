korvel_add_benchmark(metering_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/MeteringBench.cpp LIBS korvel_metering)
korvel_add_benchmark(metering_widgets_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/MeterWidgetsBench.cpp
                     LIBS korvel_metering korvel_ui)
