# Every fuzz target replays its seed corpus as an ordinary test (FuzzCorpus.NAME): the
# same entry point, linked with a small driver instead of libFuzzer.
file(GLOB replay_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fuzz_*.cpp)
add_library(nrt_replay_main OBJECT ${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp)
foreach(src ${replay_sources})
  get_filename_component(stem ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" name ${stem})
  # A target without seeds would be a gap nobody sees.
  if(NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/corpus/${name})
    message(FATAL_ERROR "fuzz target ${name} has no seed corpus in tests/fuzz/corpus/${name}")
  endif()
  add_executable(replay_${name} ${src})
  target_link_libraries(replay_${name} PRIVATE nrt_core nrt_replay_main)
  add_test(NAME FuzzCorpus.${name} COMMAND replay_${name} ${CMAKE_CURRENT_LIST_DIR}/corpus/${name})
endforeach()
