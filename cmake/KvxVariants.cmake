# The three builds of the expert: one per IDE host.
set(KVX_VARIANTS delphi3 delphi2 cbuilder)

# kvx_variant_definition(<variant> <out-var>): the compile definition that selects it.
function(kvx_variant_definition variant out)
  if(variant STREQUAL "delphi3")
    set(${out} KVX_VARIANT_DELPHI3 PARENT_SCOPE)
  elseif(variant STREQUAL "delphi2")
    set(${out} KVX_VARIANT_DELPHI2 PARENT_SCOPE)
  elseif(variant STREQUAL "cbuilder")
    set(${out} KVX_VARIANT_CBUILDER PARENT_SCOPE)
  else()
    message(FATAL_ERROR "unknown variant ${variant}")
  endif()
endfunction()

# kvx_variant_entry_point(<variant> <out-var>): the name the library exports.
function(kvx_variant_entry_point variant out)
  if(variant STREQUAL "delphi3")
    set(${out} INITEXPERT0017 PARENT_SCOPE)
  else()
    set(${out} INITEXPERT0016 PARENT_SCOPE)
  endif()
endfunction()
