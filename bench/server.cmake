# Load program for korvel-server: many concurrent clients on loopback against the real server process.
korvel_add_benchmark(server_load SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerLoad.cpp LIBS Qt6::Core Qt6::Network)
add_dependencies(server_load korvel-server)
