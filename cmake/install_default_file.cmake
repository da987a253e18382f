# Puts a freshly generated default file where the player edits it, unless the player has edited the
# copy there: then that copy stays and the new default is only mentioned.
#   cmake -DSOURCE=<new default> -DTARGET=<the player's file> -DRECORD=<what was last put there> -P ...
foreach(name SOURCE TARGET RECORD)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "install_default_file: ${name} is not given")
  endif()
endforeach()

set(replace FALSE)
if(NOT EXISTS "${TARGET}")
  set(replace TRUE)
else()
  file(SHA256 "${TARGET}" target_hash)
  file(SHA256 "${SOURCE}" source_hash)
  if(target_hash STREQUAL source_hash)
    # Already the default; only the record may be missing.
    set(replace TRUE)
  elseif(EXISTS "${RECORD}")
    file(SHA256 "${RECORD}" record_hash)
    if(target_hash STREQUAL record_hash)
      set(replace TRUE)
    endif()
  endif()
endif()

if(replace)
  file(COPY_FILE "${SOURCE}" "${TARGET}" ONLY_IF_DIFFERENT)
  file(COPY_FILE "${SOURCE}" "${RECORD}" ONLY_IF_DIFFERENT)
else()
  message(STATUS "${TARGET} has local edits and stays as it is; the new default is ${SOURCE}")
endif()
