// A "libsapnwrfc.so" that cannot be loaded because its companion is missing: the
// bridge must say which library the loader could not find.
int sapnwrfc_missing_companion_marker();
int sapnwrfc_needs_companion() { return sapnwrfc_missing_companion_marker(); }
