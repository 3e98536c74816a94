# Sections the build adds to an executable of the image: the archive of drive B: (".CFS_B",
# a ZIP of stored members) and the built-in RTOS.INI ("RTOSINI").
#
# lifeboat_cfs_member(NAME <member name> FILE <path or generator expression>
#                     [DEPENDS <targets or files>...])
#     adds a member to the archive; later members (driver DLLs, ...) join the same way.
# lifeboat_embed_image_sections(<target>...)
#     adds both sections to each target after it is linked. Call it once every member is in.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(LIFEBOAT_RTOS_INI ${PROJECT_SOURCE_DIR}/image/RTOS.INI)
set(LIFEBOAT_CFS_ARCHIVE ${PROJECT_BINARY_DIR}/cfs_b.zip)

function(lifeboat_cfs_member)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;FILE" "DEPENDS")
    if(NOT arg_NAME OR NOT arg_FILE)
        message(FATAL_ERROR "lifeboat_cfs_member needs NAME and FILE")
    endif()
    set_property(GLOBAL APPEND PROPERTY LIFEBOAT_CFS_MEMBERS "${arg_NAME}=${arg_FILE}")
    set_property(GLOBAL APPEND PROPERTY LIFEBOAT_CFS_DEPENDS ${arg_FILE} ${arg_DEPENDS})
endfunction()

function(_lifeboat_make_cfs_archive)
    get_property(members GLOBAL PROPERTY LIFEBOAT_CFS_MEMBERS)
    get_property(depends GLOBAL PROPERTY LIFEBOAT_CFS_DEPENDS)
    set(script ${PROJECT_SOURCE_DIR}/cmake/make_cfs_archive.py)
    add_custom_command(OUTPUT ${LIFEBOAT_CFS_ARCHIVE}
        COMMAND ${Python3_EXECUTABLE} ${script} ${LIFEBOAT_CFS_ARCHIVE} ${members}
        DEPENDS ${script} ${depends}
        COMMENT "Archive of drive B:"
        VERBATIM)
    add_custom_target(lifeboat_cfs_archive DEPENDS ${LIFEBOAT_CFS_ARCHIVE})
endfunction()

function(lifeboat_embed_image_sections)
    get_property(deferred GLOBAL PROPERTY LIFEBOAT_CFS_ARCHIVE_DEFERRED)
    if(NOT deferred)
        # The archive rule is written once the whole tree has added its members.
        set_property(GLOBAL PROPERTY LIFEBOAT_CFS_ARCHIVE_DEFERRED TRUE)
        cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _lifeboat_make_cfs_archive)
    endif()
    foreach(target ${ARGN})
        add_dependencies(${target} lifeboat_cfs_archive)
        # A changed archive or RTOS.INI relinks, which adds the sections again.
        set_property(TARGET ${target} APPEND PROPERTY
            LINK_DEPENDS ${LIFEBOAT_CFS_ARCHIVE} ${LIFEBOAT_RTOS_INI})
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_OBJCOPY}
                --remove-section .CFS_B --remove-section RTOSINI
                --add-section .CFS_B=${LIFEBOAT_CFS_ARCHIVE}
                --set-section-flags .CFS_B=contents,readonly
                --add-section RTOSINI=${LIFEBOAT_RTOS_INI}
                --set-section-flags RTOSINI=contents,readonly
                $<TARGET_FILE:${target}>
            VERBATIM)
    endforeach()
endfunction()
