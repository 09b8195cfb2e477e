# What keeps a clean build short on a small machine: precompiled headers for the headers nearly
# every source includes (the scene-graph library's, the ocean library's common ones, the test
# framework) and unity builds, which compile a target's sources a few at a time as one translation
# unit. A source that cannot share a unit with its neighbours is left out of it with
#   set_source_files_properties(File.cpp PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
# Both can be switched off, e.g. to check that every source still includes what it uses.
option(KELVO_PRECOMPILED_HEADERS "Precompile the headers most sources include" ON)
option(KELVO_UNITY_BUILD "Compile each target's sources in batches (unity build)" ON)
set(KELVO_UNITY_BATCH_SIZE 8 CACHE STRING "Sources per unity translation unit")

# The scene-graph library's headers that the viewer, its plug-ins and tools include most.
set(KELVO_PCH_SCENE_GRAPH
  <algorithm> <cmath> <memory> <string> <vector>
  <osg/Camera> <osg/Geode> <osg/Geometry> <osg/Group> <osg/MatrixTransform> <osg/Node>
  <osg/NodeVisitor> <osg/Notify> <osg/ref_ptr> <osg/Texture2D>
  <osgDB/FileUtils> <osgDB/ReadFile> <osgDB/Registry>
  <osgGA/GUIEventHandler> <osgText/Text> <osgViewer/View>)
# The ocean library's own common headers; it never sees the scene graph.
set(KELVO_PCH_OCEAN
  <algorithm> <cmath> <cstdint> <cstdio> <cstring> <mutex>
  <Maris/Containers.h> <Maris/Environment.h> <Maris/Matrix3.h> <Maris/Memory.h>
  <Maris/MemObject.h> <Maris/Message.h> <Maris/Vector3.h>)
set(KELVO_PCH_TESTS <gtest/gtest.h> <filesystem> <string> <vector>)

# kelvo_build_faster(TARGET [UNITY] [PCH header...])
# UNITY compiles TARGET's sources in batches; PCH precompiles the headers that follow it for
# TARGET's sources only (consumers are not affected).
function(kelvo_build_faster target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "UNITY" "" "PCH")
  if(arg_UNITY AND KELVO_UNITY_BUILD)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON
                          UNITY_BUILD_BATCH_SIZE ${KELVO_UNITY_BATCH_SIZE})
  endif()
  if(arg_PCH AND KELVO_PRECOMPILED_HEADERS)
    target_precompile_headers(${target} PRIVATE ${arg_PCH})
  endif()
endfunction()
