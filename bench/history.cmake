# The history store: recording against plain sqlite3 inserts, size per device-day, a 30-day query, queried and drawn.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
korvel_add_benchmark(history_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/HistoryBench.cpp
                     LIBS korvel_history korvel_trends PkgConfig::SQLITE3)
