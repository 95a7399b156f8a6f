# IPv4 TCP client sockets: POSIX on Linux, Windows Sockets 2.2 on Windows.
add_library(zelmora_sockets STATIC ${CMAKE_CURRENT_LIST_DIR}/socket_lookup.cpp)
if(WIN32)
  target_sources(zelmora_sockets PRIVATE ${CMAKE_CURRENT_LIST_DIR}/windows/socket.cpp)
  target_link_libraries(zelmora_sockets PUBLIC ws2_32)
else()
  target_sources(zelmora_sockets PRIVATE ${CMAKE_CURRENT_LIST_DIR}/posix/socket.cpp)
endif()
