/* min_wincgi - the smallest Windows CGI program: it finds "Output File" in
 * the profile named by its argument and writes a fixed response there.  Run
 * through corvane-wincgi it shows the cost of the bridge itself, without the
 * start-up of a program linked against the Corvane libraries. */
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    char line[4096], out[4096] = "";
    FILE* f;
    if (argc != 2 || !(f = fopen(argv[1], "r"))) return 2;
    while (fgets(line, sizeof line, f)) {
        if (strncmp(line, "Output File=", 12) == 0) {
            strncpy(out, line + 12, sizeof out - 1);
            out[strcspn(out, "\r\n")] = '\0';
            break;
        }
    }
    fclose(f);
    if (!*out || !(f = fopen(out, "wb"))) return 2;
    fputs("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length : 3\r\n\r\nok\n", f);
    return fclose(f) == 0 ? 0 : 1;
}
