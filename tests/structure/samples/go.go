// Package sample is a small Go file.
package sample

import "fmt"

type Reader struct {
	name string
}

type Closer interface {
	Close() error
}

func NewReader(name string) *Reader {
	return &Reader{name: name}
}

func (r *Reader) Read(p []byte) (int, error) {
	return 0, nil
}

func (r Reader) String() string {
	return fmt.Sprintf("reader %s", r.name)
}

func main() {
	fmt.Println(NewReader("x"))
}
