# pl_embed_resources(<target> <definition file>)
#
# Compiles a resource definition (the format is described at the top of
# resources/Pelivant.rdef) with pl_rescomp into a generated source that puts
# the resources in the executable's ".pl_resources" section. BAppFileInfo reads
# them back from the executable file, the running one or any other.
function(pl_embed_resources target definition)
  get_filename_component(def "${definition}" ABSOLUTE)
  get_filename_component(name "${def}" NAME_WE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}_resources.cpp")
  set(depfile "${out}.d")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND pl_rescomp "${def}" "${out}" "${depfile}"
    DEPENDS pl_rescomp "${def}"
    DEPFILE "${depfile}"
    COMMENT "Compiling the resources of ${target} from ${name}.rdef"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
