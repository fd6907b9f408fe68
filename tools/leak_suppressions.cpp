// Leak checking in sanitizer builds: the font library keeps allocations of its
// own until the process ends, and the surfaces' text reaches it through QtGui.
// The leak checker asks the program for this list; other builds never call it.
// Linked into every program that draws text: vurk-tool, vurk-demo, the tests.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
