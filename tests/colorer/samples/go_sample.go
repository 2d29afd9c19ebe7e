// Package main is a sample.
package main

import "fmt"

func main() {
	x := []int{1, 2, 3}
	for _, v := range x {
		fmt.Println(v, `raw string`, 'c')
	}
}
