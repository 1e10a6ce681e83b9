# Builds archives with the real zip tool for the ZIP reader's tests, beside copies of their sources.
# Usage: cmake -DZIP=<zip program> -DOUTPUT=<folder> -P MakeZipFixtures.cmake
if(NOT ZIP OR NOT OUTPUT)
    message(FATAL_ERROR "usage: cmake -DZIP=<zip program> -DOUTPUT=<folder> -P ${CMAKE_SCRIPT_MODE_FILE}")
endif()
file(REMOVE_RECURSE "${OUTPUT}")
set(tree "${OUTPUT}/tree")
file(MAKE_DIRECTORY "${tree}/Data/Nested" "${tree}/Empty Folder")

# Seeded, so every build archives the same bytes.
string(RANDOM LENGTH 300000 ALPHABET "abcdefghijklmnopqrstuvwxyz    \n" RANDOM_SEED 20250101 words)
file(WRITE "${tree}/readme.txt" "${words}")
file(WRITE "${tree}/empty.txt" "")
string(RANDOM LENGTH 5000 ALPHABET "0123456789,\n" RANDOM_SEED 7 values)
file(WRITE "${tree}/Data/Nested/values.csv" "${values}")
file(WRITE "${tree}/Data/Notes.TXT" "A name in mixed case.\n")
# Letters and digits without structure: compresses far less than the text above.
string(RANDOM LENGTH 70000 RANDOM_SEED 11 noise)
file(WRITE "${tree}/Data/noise.dat" "${noise}")
file(WRITE "${OUTPUT}/comment.txt" "Packaged by the build.\nSecond line of the comment.\n")

# make_archive(<archive> <options> <files>), each list as one argument.
function(make_archive name options files)
    execute_process(COMMAND "${ZIP}" -q ${options} "../${name}" ${files} WORKING_DIRECTORY "${tree}"
        INPUT_FILE "${OUTPUT}/comment.txt" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "zip could not make ${name} (${result})")
    endif()
endfunction()

make_archive(deflated.zip -r .)
make_archive(stored.zip "-r;-0" .)
make_archive(commented.zip "-r;-z" .)
make_archive(bzip2.zip "-Z;bzip2" readme.txt)
