// Linked with every object of one core level and only the levels below it:
// the link fails when that level calls into a higher one.
int main() { return 0; }
