// Program entry of the server.
int main() { return 0; }
