/* The start-up the programs are measured against: a C program that does nothing,
   linked the way a C program usually is. */
int main(void) { return 0; }
