// KALO: maximum-entropy reconstruction of a beam's transverse phase space.
int main() { return 0; }
