# Start-up of the whole client process beside a bare Qt widget program.
add_executable(bare_label ${CMAKE_CURRENT_LIST_DIR}/BareLabel.cpp)
target_link_libraries(bare_label PRIVATE Qt6::Widgets korvel_common_cfg)
add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/StartupBench.cpp)
target_link_libraries(startup_bench PRIVATE korvel_common_cfg)
add_dependencies(startup_bench korvel bare_label)
