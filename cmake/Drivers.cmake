# Ethernet driver DLLs: shared objects that import from nothing but the image and the C and
# C++ runtime.
#
# lifeboat_driver(<target> SOURCES <files>... [EXPORTS <names>...] [MEMBER <name on B:>])
#     builds <target>.dll in the folder's build directory. Only EXPORTS (default: getDriverObject,
#     defined with TOV_DLL_EXPORT of kernel/module/DllExport.h) are visible to the kernel's
#     loader; everything else stays inside the DLL, so a driver never stands in for a symbol of
#     the image or of another driver. MEMBER puts the DLL into the archive of drive B: under
#     that name.
#
# The build then checks every driver (target lifeboat_driver_imports, part of ALL): it
# exports each of its EXPORTS, each library it needs is one of the runtime's, and each symbol
# it imports is a versioned symbol of the runtime or one that lifeboat.exe exports.

function(lifeboat_driver target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "MEMBER" "SOURCES;EXPORTS")
    if(NOT arg_SOURCES)
        message(FATAL_ERROR "lifeboat_driver(${target}) needs SOURCES")
    endif()
    if(NOT arg_EXPORTS)
        set(arg_EXPORTS getDriverObject)
    endif()
    add_library(${target} MODULE ${arg_SOURCES})
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        SUFFIX ".dll"
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    list(JOIN arg_EXPORTS "; " names)
    set(exports ${CMAKE_CURRENT_BINARY_DIR}/${target}.exports)
    file(CONFIGURE OUTPUT ${exports} CONTENT "{\n  global: ${names};\n  local: *;\n};\n")
    # Imports stay undefined at link time: the image provides them when the DLL is loaded.
    target_link_options(${target} PRIVATE "LINKER:--version-script=${exports}" "LINKER:--as-needed")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports})
    list(JOIN arg_EXPORTS "," exported)
    set_property(TARGET ${target} PROPERTY LIFEBOAT_DRIVER_EXPORTS ${exported})
    set_property(GLOBAL APPEND PROPERTY LIFEBOAT_DRIVERS ${target})
    if(arg_MEMBER)
        lifeboat_cfs_member(NAME ${arg_MEMBER} FILE $<TARGET_FILE:${target}> DEPENDS ${target})
    endif()
endfunction()

function(_lifeboat_check_driver_imports)
    get_property(drivers GLOBAL PROPERTY LIFEBOAT_DRIVERS)
    if(NOT drivers)
        return()
    endif()
    set(files)
    foreach(driver ${drivers})
        get_property(exported TARGET ${driver} PROPERTY LIFEBOAT_DRIVER_EXPORTS)
        list(APPEND files "$<TARGET_FILE:${driver}>=${exported}")
    endforeach()
    set(script ${PROJECT_SOURCE_DIR}/cmake/check_driver_imports.py)
    set(stamp ${PROJECT_BINARY_DIR}/driver_imports.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${Python3_EXECUTABLE} ${script} --readelf ${CMAKE_READELF}
                --image $<TARGET_FILE:lifeboat> ${files}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${script} lifeboat ${drivers}
        COMMENT "Imports of the driver DLLs"
        VERBATIM)
    add_custom_target(lifeboat_driver_imports ALL DEPENDS ${stamp})
endfunction()

# Written once the whole tree has added its drivers (the test tree adds some).
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _lifeboat_check_driver_imports)
