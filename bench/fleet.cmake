# The overview, the penalty forecast and the monthly report: update passes and sorts of 10,000 devices,
# a month's forecast from the history, a report of 100 devices.
korvel_add_benchmark(fleet_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/FleetBench.cpp
                     LIBS korvel_fleet Qt6::Widgets)
