// A companion library that the test of a broken installation links against and then
// leaves out, as a probe lacks libsapucum beside SAP's library.
int sapnwrfc_missing_companion_marker() { return 1; }
