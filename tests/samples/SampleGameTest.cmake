# Starts the sample game (through EMULATOR when cross-built) twice with game command lines and
# checks that the record beside it holds exactly the parameters of the last start.
get_filename_component(folder "${PROGRAM}" DIRECTORY)
set(record "${folder}/samplegame-commandline.txt")
file(REMOVE "${record}")

function(start_and_expect expected)
    execute_process(COMMAND ${EMULATOR} "${PROGRAM}" ${ARGN} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "samplegame ended with ${status}")
    endif()
    if(NOT EXISTS "${record}")
        message(FATAL_ERROR "samplegame wrote no ${record}")
    endif()
    file(READ "${record}" recorded)
    if(NOT recorded STREQUAL expected)
        message(FATAL_ERROR "recorded [${recorded}], expected [${expected}]")
    endif()
endfunction()

start_and_expect("user=first&password=5f4dcc3b5aa765d61d8327deb882cf99&-window extra"
    "user=first&password=5f4dcc3b5aa765d61d8327deb882cf99&-window" extra)
start_and_expect("user=second&password=0123" "user=second&password=0123")
start_and_expect("")
