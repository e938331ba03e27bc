# libFuzzer harnesses, one per reader: fuzz_<name> from <name>.cpp, linked with the fuzz_support
# helpers and the libraries of the player.

# The files the coverage ignore list leaves out whole (the pixel loops, and the writers of tools/
# that make the demo project and the generated inputs) are built at -O2 without the alignment and
# pointer-overflow checks, which would keep their loops from being vectorised; the address
# sanitizer still checks every access, a vector's bytes at once. A frame of play spends most of its
# time in them, and every harness process writes the demo project with them.
file(STRINGS ${m4_cov_ignore} m4_fast_files REGEX "^src:\\*/")
foreach(entry ${m4_fast_files})
    string(REGEX REPLACE "^src:\\*/" "" pattern "${entry}")
    file(GLOB paths ${CMAKE_SOURCE_DIR}/${pattern})
    foreach(path ${paths})
        if(path MATCHES "\\.cpp$")
            set_property(SOURCE ${path} APPEND PROPERTY COMPILE_OPTIONS -O2 -fno-sanitize=alignment,pointer-overflow)
        endif()
    endforeach()
endforeach()

add_library(m4_fuzz_support STATIC ${CMAKE_CURRENT_LIST_DIR}/fuzz_support.cpp)
target_link_libraries(m4_fuzz_support PUBLIC m4_shell)
target_include_directories(m4_fuzz_support PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/src)
# The play harnesses (fuzz_play_*) run the whole player on the demo project.
add_library(m4_fuzz_play STATIC ${CMAKE_CURRENT_LIST_DIR}/play_driver.cpp)
target_link_libraries(m4_fuzz_play PUBLIC m4_fuzz_support m4_tools)

file(GLOB m4_fuzz_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fuzz_*.cpp)
list(FILTER m4_fuzz_srcs EXCLUDE REGEX "/fuzz_support\\.cpp$")
foreach(src ${m4_fuzz_srcs})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE m4_fuzz_support)
    if(name MATCHES "^fuzz_play_")
        target_link_libraries(${name} PRIVATE m4_fuzz_play)
    endif()
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()


# The seed corpora (scripts/fuzz.sh runs it once per corpus folder).
add_executable(m4_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/make_seeds.cpp)
target_link_libraries(m4_fuzz_seeds PRIVATE m4_tools m4_shell)
target_include_directories(m4_fuzz_seeds PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(m4_fuzz_seeds PRIVATE M4_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
