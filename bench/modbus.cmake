# Gateway load program for korvel-server, run by hand: 200 analyzers polled every second, simulated and
# on Modbus TCP (pymodbus), the server's processor time per poll and a bystander's ping side by side.
korvel_add_benchmark(modbus_load SOURCES ${CMAKE_CURRENT_LIST_DIR}/ModbusLoad.cpp)
add_dependencies(modbus_load korvel-server)
