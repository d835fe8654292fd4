# pl_read_app_metadata(<definition file> <prefix>)
#
# Reads what the build needs to know about the application from its resource
# definition (format at the top of resources/Pelivant.rdef), so that the
# version, the signature, the launch flags and the supported types are
# written once, in the resources the running program reads back itself:
#
#   <prefix>_VERSION    "major.middle.minor" of app_version
#   <prefix>_SIGNATURE  the signature
#   <prefix>_FLAGS      app_flags as a decimal number
#   <prefix>_TYPES      the supported_types, a list
#
# Only whole comment lines are dropped; the statements read here must not
# carry a trailing comment. Runs before project(), so it uses nothing that
# needs a language enabled.
function(pl_read_app_metadata definition prefix)
  file(STRINGS "${definition}" lines)
  set(text "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]*#")
      string(APPEND text "${line} ")
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${definition}")

  if(NOT text MATCHES "app_version[ \t]*{([^}]*)}")
    message(FATAL_ERROR "${definition}: no app_version")
  endif()
  set(block "${CMAKE_MATCH_1}")
  set(version "")
  foreach(field major middle minor)
    if(NOT block MATCHES "(^|[ \t;{])${field}[ \t]+([0-9]+)[ \t]*;")
      message(FATAL_ERROR "${definition}: app_version has no ${field}")
    endif()
    list(APPEND version "${CMAKE_MATCH_2}")
  endforeach()
  list(JOIN version "." version)

  if(NOT text MATCHES "(^|[ \t;])signature[ \t]+\"([^\"]+)\"[ \t]*;")
    message(FATAL_ERROR "${definition}: no signature")
  endif()
  set(signature "${CMAKE_MATCH_2}")

  # The names rescomp knows for the launch flags.
  set(B_SINGLE_LAUNCH 0)
  set(B_MULTIPLE_LAUNCH 1)
  set(B_EXCLUSIVE_LAUNCH 2)
  set(B_BACKGROUND_APP 4)
  set(B_ARGV_ONLY 8)
  set(flags 0)
  if(text MATCHES "(^|[ \t;])app_flags([^;]*);")
    string(REGEX REPLACE "[ \t]" "" expression "${CMAKE_MATCH_2}")
    string(REPLACE "|" ";" terms "${expression}")
    foreach(term IN LISTS terms)
      if(DEFINED ${term})
        set(term "${${term}}")
      elseif(NOT term MATCHES "^(0x[0-9a-fA-F]+|[0-9]+)$")
        message(FATAL_ERROR "${definition}: unknown launch flag '${term}'")
      endif()
      math(EXPR flags "${flags} | ${term}")
    endforeach()
  endif()

  set(types "")
  if(text MATCHES "(^|[ \t;])supported_types([^;]*);")
    string(REGEX MATCHALL "\"[^\"]+\"" quoted "${CMAKE_MATCH_2}")
    foreach(type IN LISTS quoted)
      string(REPLACE "\"" "" type "${type}")
      list(APPEND types "${type}")
    endforeach()
  endif()

  set(${prefix}_VERSION "${version}" PARENT_SCOPE)
  set(${prefix}_SIGNATURE "${signature}" PARENT_SCOPE)
  set(${prefix}_FLAGS "${flags}" PARENT_SCOPE)
  set(${prefix}_TYPES "${types}" PARENT_SCOPE)
endfunction()
