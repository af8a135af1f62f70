# The web page: the scene compiled to WebAssembly with emscripten
# (emcmake cmake), driven by the page's own script. Included from the
# top-level CMakeLists.txt instead of the native targets.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The bitmaps travel deflated and are inflated when first drawn; the page
# would otherwise be several times larger.
set(web_bitmaps_cpp ${CMAKE_CURRENT_BINARY_DIR}/deflated_bitmaps.cpp)
set(web_bitmaps
  ${PROJECT_SOURCE_DIR}/resources/sheet.bmp
  ${PROJECT_SOURCE_DIR}/resources/sheet-mask.bmp
  ${PROJECT_SOURCE_DIR}/resources/ground.bmp)
add_custom_command(
  OUTPUT ${web_bitmaps_cpp}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/host/web/embed_deflated.py ${web_bitmaps_cpp}
          103=${PROJECT_SOURCE_DIR}/resources/sheet.bmp
          104=${PROJECT_SOURCE_DIR}/resources/sheet-mask.bmp
          105=${PROJECT_SOURCE_DIR}/resources/ground.bmp
  DEPENDS ${web_bitmaps} ${PROJECT_SOURCE_DIR}/host/web/embed_deflated.py
  COMMENT "Deflating bitmaps for the web page"
  VERBATIM)

add_library(glimmerkin_resources STATIC ${web_bitmaps_cpp} host/web/web_resources.cpp
            host/web/web_bitmaps.cpp host/web/inflate.cpp)
target_include_directories(glimmerkin_resources PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(glimmerkin_resources PRIVATE glimmerkin_warnings)

add_library(glimmerkin_draw STATIC draw/raster/raster.cpp draw/damage.cpp draw/pixels.cpp)
target_include_directories(glimmerkin_draw PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(glimmerkin_draw PUBLIC glimmerkin_bmp glimmerkin_resources PRIVATE glimmerkin_warnings)

add_library(glimmerkin_stage STATIC animation/stage.cpp animation/scene_plan.cpp
  animation/present.cpp)
target_include_directories(glimmerkin_stage PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(glimmerkin_stage PUBLIC glimmerkin_scene glimmerkin_draw
                      PRIVATE glimmerkin_warnings)

add_executable(glimmerkin-web host/web/web_main.cpp host/web/web_bench.cpp host/web/page_options.cpp)
set_target_properties(glimmerkin-web PROPERTIES OUTPUT_NAME glimmerkin SUFFIX .js)
target_link_libraries(glimmerkin-web PRIVATE glimmerkin_stage glimmerkin_host_common glimmerkin_warnings)
# Turning the frame into canvas pixels is one pass over every pixel; SIMD
# (in every current browser) does it four pixels at a time.
target_compile_options(glimmerkin-web PRIVATE -msimd128)
target_link_options(glimmerkin-web PRIVATE -msimd128)
target_link_options(glimmerkin-web PRIVATE
  -sENVIRONMENT=web
  -sMODULARIZE=1
  -sEXPORT_NAME=Glimmerkin
  -sFILESYSTEM=0
  -sALLOW_MEMORY_GROWTH=1
  -sMAXIMUM_MEMORY=1gb
  -sINITIAL_MEMORY=32mb
  -sEXPORTED_RUNTIME_METHODS=[]
  -sINCOMING_MODULE_JS_API=[]
  -sSUPPORT_ERRNO=0
  -sTEXTDECODER=2
  -sDYNAMIC_EXECUTION=0)
# The page itself sits beside the module, with the address its small link
# leads to.
set(GLIMMERKIN_HOME_URL "https://github.com/glimmerkin/glimmerkin" CACHE STRING
    "Where the web page's link to the project leads")
configure_file(host/web/index.html ${CMAKE_CURRENT_BINARY_DIR}/index.html @ONLY)
