# Run by CPack after it has made the .deb: the members of its ar archive
# carry the modes their files had on disk, that is the umask of the build.
# Debian's own packages have 0644 members, so every member's mode field is
# set to that, and two builds under different umasks give the same bytes.
# An ar archive is "!<arch>\n", then per member a 60-byte header (name 16,
# time 12, owner 6, group 6, mode 8, size 10, "`\n") and its data, padded
# to an even length.
set(header_bytes 60)
set(mode_offset 40)
set(size_offset 48)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(SIZE "${package}" package_size)
  set(mode_file "${package}.mode")
  file(WRITE "${mode_file}" "100644  ")
  set(offset 8)
  while(offset LESS package_size)
    math(EXPR size_at "${offset} + ${size_offset}")
    file(READ "${package}" member_size OFFSET ${size_at} LIMIT 10)
    string(STRIP "${member_size}" member_size)
    if(NOT member_size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${package}: no ar member header at byte ${offset}")
    endif()
    math(EXPR mode_at "${offset} + ${mode_offset}")
    execute_process(
      COMMAND dd if=${mode_file} of=${package} bs=1 seek=${mode_at} conv=notrunc status=none
      RESULT_VARIABLE written)
    if(NOT written EQUAL 0)
      message(FATAL_ERROR "${package}: cannot set the mode of the member at byte ${offset}")
    endif()
    math(EXPR offset "${offset} + ${header_bytes} + ${member_size} + (${member_size} % 2)")
  endwhile()
  file(REMOVE "${mode_file}")
endforeach()
