# Copies the files named in LIST (one per line, relative to FROM) to TO.
file(STRINGS ${LIST} names)
foreach(name ${names})
  get_filename_component(dir ${name} DIRECTORY)
  file(MAKE_DIRECTORY "${TO}/${dir}")
  file(COPY "${FROM}/${name}" DESTINATION "${TO}/${dir}")
endforeach()
