// kalo-format: checks a format string by hand (filled in with the text records).
int main() { return 0; }
