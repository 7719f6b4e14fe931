// Benchmark floor for the record: a program that does nothing, linked fully
// statically, so no loader and no shared library take part in its start-up. It shows
// how much of the sensor's floor is dynamic loading alone.
int main() { return 0; }
