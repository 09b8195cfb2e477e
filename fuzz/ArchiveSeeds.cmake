# cmake -DZIP_TOOL=... -DWORK_DIR=... -DOUTPUT_DIR=... -P ArchiveSeeds.cmake
# Writes small archives of fuzzing reference models: plain, stored, encrypted with the registered
# password, with the model in a directory beside macOS resource copies, and one nested in another.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/content/sub ${WORK_DIR}/content/__MACOSX ${OUTPUT_DIR})
file(WRITE ${WORK_DIR}/content/model.kref "node sub/part.kref\nimage tex.rgb\nnode part.kfile\nshader s.glsl\n")
file(WRITE ${WORK_DIR}/content/sub/part.kref "image ../tex.rgb\nobject ./missing.kref\nheightfield h.kref\n")
file(WRITE ${WORK_DIR}/content/part.kfile "node sub/part.kref\nimage tex.rgb\n")
file(WRITE ${WORK_DIR}/content/tex.rgb "not an image\n")
file(WRITE ${WORK_DIR}/content/s.glsl "void main() {}\n")
file(WRITE ${WORK_DIR}/content/__MACOSX/._model.kref "fork\n")

# zip_seed(archive "options" files...)
function(zip_seed name options)
  separate_arguments(options)
  execute_process(COMMAND ${ZIP_TOOL} -q -X -r ${options} ${OUTPUT_DIR}/${name} ${ARGN}
                  WORKING_DIRECTORY ${WORK_DIR}/content RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "zip failed for ${name}")
  endif()
endfunction()

zip_seed(plain.zip "" model.kref sub part.kfile tex.rgb s.glsl)
zip_seed(stored.zip "-0" model.kref sub part.kfile tex.rgb)
zip_seed(encrypted.zip "-P harbor42" model.kref sub part.kfile tex.rgb)
zip_seed(directory.zip "" sub __MACOSX)
file(COPY ${OUTPUT_DIR}/plain.zip DESTINATION ${WORK_DIR}/content/sub)
zip_seed(nested.zip "" sub/plain.zip)

# Entry names the zip tool will not write: climbing out of the archive, absolute, with backslashes.
find_program(PYTHON_TOOL python3 REQUIRED)
execute_process(COMMAND ${PYTHON_TOOL} -c
  "import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], 'w') as z:\n    z.writestr('../up/model.kfile', 'image ../tex.rgb\\nnode \\\\abs\\\\b.kref\\n')\n    z.writestr('/abs/b.kref', 'image ..\\\\..\\\\tex.rgb\\n')\n    z.writestr('tex.rgb', 'x\\n')\n"
  ${OUTPUT_DIR}/odd-names.zip RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "python3 failed for odd-names.zip")
endif()
