# Measured values, events, the physical units and the received-text matcher.
add_library(kovo_measdata STATIC
  ${CMAKE_CURRENT_LIST_DIR}/COAirPressure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COEvent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COMeas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COUnits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StringMatcher.cpp
)
target_include_directories(kovo_measdata PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kovo_measdata PUBLIC kovo_platform_core Common)
