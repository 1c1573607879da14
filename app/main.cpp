// Process entry: hands over to the shell's entry function.
int main() { return 0; }
