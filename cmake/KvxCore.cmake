# The expert's core, compiled once per variant into an object library (which
# tests link directly) and a shared library that exports only the entry point.
file(GLOB KVX_CORE_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/contracts/*.cpp
     ${CMAKE_SOURCE_DIR}/shell/*.cpp
     ${CMAKE_SOURCE_DIR}/editorlink/*.cpp
     ${CMAKE_SOURCE_DIR}/menuctrl32/*.cpp
     ${CMAKE_SOURCE_DIR}/sync/*.cpp)

foreach(variant IN LISTS KVX_VARIANTS)
  kvx_variant_definition(${variant} definition)
  kvx_variant_entry_point(${variant} entry)

  add_library(kvxcore_${variant} OBJECT ${KVX_CORE_SOURCES})
  target_compile_definitions(kvxcore_${variant} PUBLIC ${definition})
  target_include_directories(kvxcore_${variant} PUBLIC ${CMAKE_SOURCE_DIR})
  set_target_properties(kvxcore_${variant} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(kvxcore_${variant} PRIVATE kvx_warnings)
  if(NOT WIN32)
    target_link_libraries(kvxcore_${variant} PUBLIC winsub)
    # Keep the library unloadable: no STB_GNU_UNIQUE symbols.
    target_compile_options(kvxcore_${variant} PRIVATE -fno-gnu-unique)
  endif()

  add_library(kvxlink_${variant} SHARED $<TARGET_OBJECTS:kvxcore_${variant}>)
  set_target_properties(kvxlink_${variant} PROPERTIES PREFIX "" OUTPUT_NAME kvxlink_${variant})
  if(WIN32)
    # The entry point is __stdcall with three pointer arguments, so its linker
    # name carries "@12"; --kill-at exports it undecorated.
    set(def ${CMAKE_BINARY_DIR}/kvxlink_${variant}.def)
    file(WRITE ${def} "EXPORTS\n  ${entry}@12\n")
    target_sources(kvxlink_${variant} PRIVATE ${def})
    target_link_options(kvxlink_${variant} PRIVATE -static -static-libgcc -static-libstdc++
                        -Wl,--kill-at)
  else()
    set(map ${CMAKE_BINARY_DIR}/kvxlink_${variant}.map)
    file(WRITE ${map} "{\n  global: ${entry};\n  local: *;\n};\n")
    target_link_libraries(kvxlink_${variant} PRIVATE winsub)
    target_link_options(kvxlink_${variant} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
    set_property(TARGET kvxlink_${variant} APPEND PROPERTY LINK_DEPENDS ${map})
  endif()
endforeach()
