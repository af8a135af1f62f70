# Cross-checks the simulator's trace against an independent Python model of
# the scene. Skipped only when no Python interpreter can be found.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  # Configurations "SEED WxH TICKS ALIENS", chosen so that between them every
  # stage of the life cycle occurs: courtship, couples, babies, grown aliens;
  # a tiny stage on which every landing search runs out of tries; a scene that
  # fills the list mid-run; creation cut short by the full list; and a
  # negative alien count.
  add_test(NAME scene_model_agrees
    COMMAND sh ${PROJECT_SOURCE_DIR}/tools/model/compare.sh
      $<TARGET_FILE:glimmerkin-sim> ${Python3_EXECUTABLE}
      ${PROJECT_SOURCE_DIR}/tools/model/scene_model.py
      "1 1024x768 6000 9"
      "20261208 640x480 3000 25"
      "1 160x40 2000 9"
      "42 1024x768 600 700"
      "2 1920x1080 60 2000"
      "4294967295 71x71 1000 9"
      "4294967295 100x100 200 -5")
  set_tests_properties(scene_model_agrees PROPERTIES TIMEOUT 120)
else()
  message(STATUS "Python 3 not found: scene_model_agrees not registered")
endif()
