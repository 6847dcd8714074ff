# Run in the LV2 bundle after DPF's generator: cmake -DTUNED=2,7 -P lv2_presets.cmake
#
# The generator writes each preset with the state of the one instance it loads the programs into in
# turn. That state's seed is random, and every instance keeps its own: the seed goes. Its tuning is
# the last one a program named, which only that program's preset is to set (a program without one
# leaves the tuning as it is, and so must its preset): the state stays in the presets of the
# programs TUNED names (indices from 0, in the generator's order) and goes from the others.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" tuned "${TUNED}")
file(READ presets.ttl rest)
set(out "")
set(program 0)
set(opening "    state:state [\n")
set(closing "    ] ;\n")
string(LENGTH "${closing}" closing_length)
while(TRUE)
    string(FIND "${rest}" "${opening}" start)
    if(start EQUAL -1)
        break()
    endif()
    string(SUBSTRING "${rest}" 0 ${start} before)
    string(APPEND out "${before}")
    string(SUBSTRING "${rest}" ${start} -1 rest)
    string(FIND "${rest}" "${closing}" end)
    if(end EQUAL -1)
        message(FATAL_ERROR "presets.ttl: a state of program ${program} does not end")
    endif()
    math(EXPR end "${end} + ${closing_length}")
    string(SUBSTRING "${rest}" 0 ${end} block)
    string(SUBSTRING "${rest}" ${end} -1 rest)
    if(program IN_LIST tuned)
        string(REGEX REPLACE "\nseed=[0-9]+\n" "\n" block "${block}")
        string(APPEND out "${block}")
    endif()
    math(EXPR program "${program} + 1")
endwhile()
string(APPEND out "${rest}")
file(WRITE presets.ttl "${out}")
