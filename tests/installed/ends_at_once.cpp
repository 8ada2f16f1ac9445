// A program that ends at once, as a service program would that crashes or
// cannot start: put in the service's place, it never registers its object.
int main() {
    return 1;
}
