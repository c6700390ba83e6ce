// The program each layer is linked into on its own (see Layers.cmake).
int main() { return 0; }
