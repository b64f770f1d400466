# Decoders of every compression method an archive may use (Decoder.h), built
# in the Windows and the native build alike.
add_library(setup_zip_decoders STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReduceDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/CodecSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/StoredCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/ZlibCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/Bzip2Codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/LzmaCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/WavPackCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/PpmdCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/SevenZipStreams.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/SevenZipCodecs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/SevenZipGuids.cpp)
target_include_directories(setup_zip_decoders PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(setup_zip_decoders PRIVATE dep::codec7z dep::zlib dep::bz2 dep::lzma dep::wavpack)
if(WIN32)
  target_link_libraries(setup_zip_decoders PRIVATE uuid)  # IID_IUnknown for 7-Zip's coders
endif()
# 7-Zip's coders are built without RTTI; classes that derive from them must
# be too, or they would refer to type information that does not exist.
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/SevenZipCodecs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codecs/SevenZipStreams.cpp
  PROPERTIES COMPILE_OPTIONS -fno-rtti)
