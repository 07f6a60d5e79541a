# Generated test media (WAV, MP3, AVI), a live MP3 stream on loopback and a scripted MediaPlayer.
# The tests and the benchmarks both use them, so this is included from both folders (once); the
# aliases make a missing target an error when CMake configures, not when the linker runs.
include_guard(GLOBAL)
find_package(Qt6 REQUIRED COMPONENTS Core Network)
find_library(MP3LAME_LIBRARY mp3lame REQUIRED)

add_library(lv_test_media STATIC ${CMAKE_CURRENT_LIST_DIR}/test_media.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stream_server.cpp)
target_include_directories(lv_test_media PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lv_test_media PUBLIC Qt6::Core Qt6::Network PRIVATE lv_codec ${MP3LAME_LIBRARY})
add_library(Lyravox::test_media ALIAS lv_test_media)

# A scripted MediaPlayer for controller tests (also for other subsystems' tests).
add_library(lv_fake_media_player STATIC ${CMAKE_CURRENT_LIST_DIR}/fake_media_player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_media_player.h)
target_include_directories(lv_fake_media_player PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(lv_fake_media_player PUBLIC lv_playback)
add_library(Lyravox::fake_media_player ALIAS lv_fake_media_player)
