# Writes OUT: a C++ source holding every content file below DIR as a string literal, so the
# library carries its literal texts and needs no data files at run time.
# Usage: cmake -DDIR=<content dir> -DOUT=<generated .cpp> -P embed_content.cmake
file(GLOB_RECURSE files RELATIVE "${DIR}" "${DIR}/*.json")
list(SORT files)
set(body "// Generated from questkit/content at build time. Do not edit.\n#include \"support/content.hpp\"\n\nnamespace talewick::content {\nnamespace {\nconst ContentFile kFiles[] = {\n")
foreach(f IN LISTS files)
  file(READ "${DIR}/${f}" text)
  string(APPEND body "  {\"${f}\", R\"tw_content(${text})tw_content\"},\n")
endforeach()
string(APPEND body "};\n}  // namespace\n\nstd::span<const ContentFile> files() { return kFiles; }\n\n}  // namespace talewick::content\n")
file(WRITE "${OUT}.tmp" "${body}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
