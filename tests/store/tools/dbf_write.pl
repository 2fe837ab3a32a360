#!/usr/bin/perl
# Writes a DBF table with Perl's XBase from the plain text of dbf_dump.py on standard input.
use strict;
use warnings;
use Encode;
use XBase;

my $path = shift;
my (@names, @types, @lens, @decs, @rows);
binmode STDIN, ':encoding(UTF-8)';
while (my $line = <STDIN>) {
    chomp $line;
    if ($line =~ /^F (\S+) (\S) (\d+) (\d+)$/) {
        push @names, $1; push @types, $2; push @lens, $3; push @decs, $4;
    } elsif ($line =~ /^([RX])\|(.*)$/) {
        push @rows, [$1 eq 'X', split(/\|/, $2, -1)];
    }
}
(my $base = $path) =~ s/\.dbf$//i;
my $t = XBase->create(name => $base, field_names => \@names, field_types => \@types,
                      field_lengths => \@lens, field_decimals => \@decs) or die XBase->errstr;
my $n = 0;
for my $row (@rows) {
    my ($deleted, @v) = @$row;
    for my $i (0 .. $#v) {
        if ($types[$i] eq 'C') { $v[$i] = encode('cp1252', $v[$i]); }
        elsif ($types[$i] eq 'L') { $v[$i] = $v[$i] eq '' ? undef : $v[$i] eq 'T' ? 1 : 0; }
        elsif ($v[$i] eq '') { $v[$i] = undef; }
    }
    $t->set_record($n, @v) or die $t->errstr;
    $t->delete_record($n) if $deleted;
    $n++;
}
$t->close;
