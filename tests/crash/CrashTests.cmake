# The helper of scripts/crash-test.sh: runs a launcher and kills it from outside at a chosen point
# of its file activity (inotify, so Linux only; it watches Brightwell.exe under Wine as well).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    add_executable(kill-watch ${CMAKE_CURRENT_LIST_DIR}/KillWatch.cpp)
endif()
