# Every fuzz target replays its seed corpus as an ordinary test (FuzzCorpus.NAME): the
# same entry point, linked with a small driver instead of libFuzzer.
file(GLOB replay_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fuzz_*.cpp)
foreach(src ${replay_sources})
  get_filename_component(stem ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" name ${stem})
  if(NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/corpus/${name})
    continue()
  endif()
  add_executable(replay_${name} ${src} ${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp)
  target_link_libraries(replay_${name} PRIVATE nrt_core)
  add_test(NAME FuzzCorpus.${name} COMMAND replay_${name} ${CMAKE_CURRENT_LIST_DIR}/corpus/${name})
endforeach()
