# The registry functions: advapi32 on Windows, hive files elsewhere.
add_library(zelmora_registry STATIC)
if(WIN32)
  target_sources(zelmora_registry PRIVATE ${CMAKE_CURRENT_LIST_DIR}/windows/registry.cpp)
  target_link_libraries(zelmora_registry PUBLIC advapi32)
else()
  target_sources(zelmora_registry PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/posix/registry_hive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/registry_hive_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/registry_hive_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/registry_system.cpp)
endif()
