#!/usr/bin/perl
use strict;
use warnings;

package Counter;

sub new {
    my ($class) = @_;
    return bless { count => 0 }, $class;
}

sub increment { $_[0]{count}++ }

package main;

sub Counter::reset {
    $_[0]{count} = 0;
}

my $c = Counter->new;
$c->increment;
