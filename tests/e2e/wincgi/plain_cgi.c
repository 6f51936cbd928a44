/* plain_cgi - the smallest program speaking CGI/1.1 directly: it answers
 * with the request method and query string as text/plain.  The bridge's
 * measurements put it beside corvane-wincgi and the fake Windows CGI program
 * on the same web server. */
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    const char* method = getenv("REQUEST_METHOD");
    const char* query = getenv("QUERY_STRING");
    printf("Content-Type: text/plain\r\n\r\nmethod=%s\nquery=%s\n", method ? method : "",
           query ? query : "");
    return 0;
}
