# The card traces drive our loader on the simulated bench, as the simulator's tests do.
target_sources(test_trace PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/sim/gpasm_program.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/sim/card_link_host.cpp)
target_include_directories(test_trace PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/sim)
