// pelmar-batch: loads a document, runs actions on it, saves it.
int main() { return 0; }
