#!/usr/bin/perl
# Prints a DBF table as Perl's XBase reads it, in the same plain text as dbf_dump.py (fields and
# records; the header line carries the record count, header and record lengths).
use strict;
use warnings;
use Encode;
use XBase;

binmode STDOUT, ':encoding(UTF-8)';
my $t = XBase->new(shift) or die XBase->errstr;
my @names = $t->field_names;
my @types = $t->field_types;
my @lens = $t->field_lengths;
my @decs = $t->field_decimals;
print join(' ', 'H', $t->{version}, $t->last_record + 1, $t->{header_len}, $t->{record_len}), "\n";
print "F $names[$_] $types[$_] $lens[$_] $decs[$_]\n" for 0 .. $#names;
my (@live, @gone);
for my $n (0 .. $t->last_record) {
    my ($deleted, @v) = $t->get_record($n);
    my @out;
    for my $i (0 .. $#names) {
        my $v = $v[$i];
        if (!defined $v || $v eq '') { push @out, ''; next; }
        if ($types[$i] eq 'N' || $types[$i] eq 'F') {
            push @out, sprintf('%.*f', $decs[$i], $v);
        } elsif ($types[$i] eq 'L') {
            push @out, $v ? 'T' : 'F';
        } elsif ($types[$i] eq 'C') {
            (my $s = decode('cp1252', $v)) =~ s/ +$//;
            push @out, $s;
        } else {
            push @out, $v;
        }
    }
    push @{ $deleted ? \@gone : \@live }, join('|', @out);
}
print "R|$_\n" for @live;
print "X|$_\n" for @gone;
