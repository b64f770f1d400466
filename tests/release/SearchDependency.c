/* A DLL that another imports, built twice under one name: the genuine copy
   beside the DLL that imports it (ORIGIN 1) and a planted one beside the
   test program (ORIGIN 2). */
__declspec(dllexport) int SearchDependencyOrigin(void) { return ORIGIN; }
