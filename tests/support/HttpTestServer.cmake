# The loopback HTTP(S) server of the HTTP tests, also used by bench/http.
if(NOT TARGET mc_http_testserver)
  find_package(OpenSSL REQUIRED)
  find_package(Threads REQUIRED)
  add_library(mc_http_testserver STATIC ${CMAKE_CURRENT_LIST_DIR}/HttpTestServer.cpp)
  target_include_directories(mc_http_testserver PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(mc_http_testserver PUBLIC OpenSSL::SSL Threads::Threads)
endif()
