/* Stands in for a system DLL with an import of its own: it tells which copy
   of that import was bound. */
__declspec(dllimport) int SearchDependencyOrigin(void);
__declspec(dllexport) int ProbeOrigin(void) { return SearchDependencyOrigin(); }
