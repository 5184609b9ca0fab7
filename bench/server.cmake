# Load program for korvel-server: many concurrent clients on loopback against the real server process,
# with redis-server as the yardstick when it is installed. The client is the same kind of loop as the server.
find_package(Threads REQUIRED)
find_package(OpenSSL 3 REQUIRED)
korvel_add_benchmark(server_load SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerLoad.cpp LIBS Threads::Threads OpenSSL::SSL)
target_include_directories(server_load SYSTEM PRIVATE ${ASIO_INCLUDE_DIR})
target_compile_definitions(server_load PRIVATE ASIO_STANDALONE ASIO_NO_DEPRECATED)
add_dependencies(server_load korvel-server)
