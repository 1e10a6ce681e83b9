# Extra parts of engine_tests: the tests of one platform's helpers, and random files with their
# md5sum digests that the MD5 tests check against (beside the test program, so Wine finds them).
if(CMAKE_SCRIPT_MODE_FILE)
    # Script mode: sizes on each side of the padding boundaries (56 and 64 bytes modulo 64) and
    # large files ending inside and on a block.
    file(MAKE_DIRECTORY ${OUTPUT_DIR})
    foreach(size 1 55 56 63 64 65 119 120 128 1048583 5242935 4194304)
        execute_process(COMMAND head -c ${size} /dev/urandom OUTPUT_FILE ${OUTPUT_DIR}/random-${size}.bin
            COMMAND_ERROR_IS_FATAL ANY)
        list(APPEND names random-${size}.bin)
    endforeach()
    execute_process(COMMAND md5sum ${names} WORKING_DIRECTORY ${OUTPUT_DIR}
        OUTPUT_FILE ${OUTPUT_DIR}/file-digests.txt COMMAND_ERROR_IS_FATAL ANY)
    return()
endif()

if(WIN32)
    target_sources(engine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/win32/SystemHelpersWin32Test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/win32/ElevationWin32Test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../platform/win32/NativeFileWin32Test.cpp)
    # The sample game stands in for the launcher in the elevated start's test.
    add_dependencies(engine_tests samplegame)
else()
    target_sources(engine_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/posix/SystemHelpersPosixTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../platform/posix/NativeFilePosixTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/posix/ElevationPosixTest.cpp)
    # Lets the native file tests make the disk refuse a flush.
    target_link_options(engine_tests PRIVATE -Wl,--wrap=fsync)
endif()

set(MD5_DATA_DIR ${CMAKE_CURRENT_BINARY_DIR}/md5-data)
add_custom_command(OUTPUT ${MD5_DATA_DIR}/file-digests.txt
    COMMAND ${CMAKE_COMMAND} -DOUTPUT_DIR=${MD5_DATA_DIR} -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Generating random files and their md5sum digests")
add_custom_target(md5_test_data DEPENDS ${MD5_DATA_DIR}/file-digests.txt)
add_dependencies(engine_tests md5_test_data)
